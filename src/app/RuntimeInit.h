// The start-up calls that an application's entry makes through linked addresses.
#pragma once

extern "C" {
void RuntimeInit();
void RuntimeRun();
}

// True once RuntimeRun has been entered.
bool RuntimeRunWasCalled();
