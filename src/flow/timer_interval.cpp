#include "flow/timer_interval.h"

#include <QTimer>

namespace lumo::flow {

void SetTimerInterval(QTimer& timer, int milliseconds) {
    if (milliseconds <= 0) {
        timer.stop();
        return;
    }
    if (timer.isActive() && timer.interval() == milliseconds) return;
    timer.start(milliseconds);
}

}  // namespace lumo::flow
