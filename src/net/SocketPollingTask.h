// The socket polling task: a background task that every 100 ticks polls the plug-ins'
// pollable objects, every socket and every open serial port, so that they make progress where
// no main-loop pass runs (a nested toolkit loop). It runs while sockets exist: the first socket arms it, it goes once
// the last socket is gone (it never lingers without a timer, which would keep the loop awake),
// and a later socket arms it again.
#pragma once

#include <cstdint>

constexpr int32_t kSocketPollingPeriod = 100;  // ticks

void ArmSocketPollingTask();
void StopSocketPollingTask();
bool SocketPollingTaskArmed();
// What the task does each period.
void RunSocketPollingTask();
