#include "resolve/off_gui_thread.h"

#include <QEventLoop>

#include <memory>
#include <utility>

#include "flow/gui_channel.h"
#include "flow/worker_threads.h"

namespace lumo::resolve {

namespace {
int waits = 0;  // GUI thread only
}  // namespace

int OffGuiThreadWaits() { return waits; }

std::optional<std::string> RunOffGuiThread(std::function<std::string()> work) {
    QEventLoop loop;
    const std::shared_ptr<flow::GuiChannel> channel = flow::GuiChannel::Open(&loop);
    auto result = std::make_shared<std::optional<std::string>>();
    const bool started = flow::WorkerThreads::Start([work = std::move(work), channel, result, &loop] {
        std::string value = work();
        // The closure runs only while the loop (its target) still exists.
        channel->Post([value = std::move(value), result, &loop]() mutable {
            *result = std::move(value);
            loop.quit();
        });
    });
    if (started) {
        ++waits;
        loop.exec();
        --waits;
    }
    channel->Close();
    return *result;
}

}  // namespace lumo::resolve
