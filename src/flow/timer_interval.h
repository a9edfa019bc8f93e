#pragma once

class QTimer;

namespace lumo::flow {

// Lumo's timer rule: setting the interval a running timer already has leaves
// its countdown undisturbed; 0 or less stops it; any other value (re)starts
// it with that interval.
void SetTimerInterval(QTimer& timer, int milliseconds);

}  // namespace lumo::flow
