#include "app/message_box_prompter.h"

#include <QFileDialog>
#include <QMessageBox>

namespace lumo::app {

bool MessageBoxPrompter::AskYesNo(QWidget* owner, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxPrompter::Inform(QWidget* owner, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

QString MessageBoxPrompter::ChooseOpenFile(QWidget* owner, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(owner, title, QString(), filter);
}

}  // namespace lumo::app
