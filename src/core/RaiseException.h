// Raisers of the framework's built-in exceptions.
//
// A raiser returns normally; the routine that called it then returns its neutral value at once
// and does no further work, and the exception takes effect when control is back in compiled
// code. Until the exception classes exist the raisers report instead.
#pragma once

extern "C" {
void RaiseNilObjectException();
void RaiseIllegalCastException();
void RaiseOutOfBoundsException();
}
