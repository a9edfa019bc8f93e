#pragma once

#include <QObject>
#include <QPointer>

namespace lumo::flow {
class ListModel;
}  // namespace lumo::flow

namespace lumo::app {

class ListView;

// Keeps a list view showing a row model: every change of the model (rows,
// cells, state icons, selection, scrolling) is mirrored into the view, and
// the user's selection in the view goes back into the model. Clicks and
// double-clicks select the row in the model first, then are announced, so
// a flow reading the model's selection sees the row the user hit.
//
// Rows the view already holds when it is bound (read from the settings at
// start-up) are taken into an empty model; otherwise the view is refilled
// from the model.
class ListBinder : public QObject {
    Q_OBJECT
public:
    ListBinder(flow::ListModel& model, ListView& view, QObject* parent = nullptr);

    flow::ListModel& Model() const { return model_; }
    // Null once the view has been destroyed.
    ListView* View() const { return view_.data(); }

signals:
    void RowClicked(int row);
    void RowDoubleClicked(int row);

private:
    void Refill();
    void AppendToView(int row);
    void ShowState(int row);
    void ShowSelection(int row);
    void TakeSelectionFromView();

    flow::ListModel& model_;
    QPointer<ListView> view_;
    bool syncing_ = false;
};

}  // namespace lumo::app
