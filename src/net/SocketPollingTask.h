// The socket polling task: every 100 ticks it polls every socket, so that sockets make
// progress where no main-loop pass runs. It runs while sockets exist: the first socket
// arms it, and it stops (without a timer, so it never keeps the loop awake) once the last
// socket is gone; a later socket arms it again.
#pragma once

#include <cstdint>

constexpr int32_t kSocketPollingPeriod = 100;  // ticks

void ArmSocketPollingTask();
void StopSocketPollingTask();
bool SocketPollingTaskArmed();
// What the task does each period.
void RunSocketPollingTask();
