// The system beep.
#pragma once

// Sounds the display's bell; without a display there is nothing to sound.
void SystemBeep();

extern "C" void RuntimeBeep();
