#include "app/gl_sharing.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>

// QtGui's own setter, the one QGuiApplication uses for the attribute; the
// web engine reads the context back when it starts.
void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace lumo::app {

namespace {

QtMessageHandler previousHandler = nullptr;

// Qt says the attribute comes too late, but what reads it from here on (the
// web views) still sees it; the message would only mislead.
void DropLateAttributeWarning(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.contains(QLatin1String("must be set before QCoreApplication"))) return;
    if (previousHandler != nullptr) previousHandler(type, context, text);
}

void ForgetSharedContext() {
    QOpenGLContext* context = QOpenGLContext::globalShareContext();
    qt_gl_set_global_share_context(nullptr);
    delete context;
}

}  // namespace

bool ShareGlContextsForWebViews() {
    if (QOpenGLContext* shared = QOpenGLContext::globalShareContext()) return shared->isValid();
    previousHandler = qInstallMessageHandler(DropLateAttributeWarning);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qInstallMessageHandler(previousHandler);
    auto* context = new QOpenGLContext;
    context->setFormat(QSurfaceFormat::defaultFormat());
    const bool made = context->create();
    // Kept also when it could not be made, as Qt keeps its own: the web
    // engine then draws without GL instead of using a context that is not
    // there.
    qt_gl_set_global_share_context(context);
    // Gone with the application, after every window that drew with it.
    qAddPostRoutine(ForgetSharedContext);
    return made;
}

}  // namespace lumo::app
