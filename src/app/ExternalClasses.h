// The application's first call: registers the intrinsic classes, builds the global-function
// table, then registers the control classes, so that class names and global functions resolve
// before compiled code uses them.
#pragma once

extern "C" void RuntimeInitExternalClasses();

// The intrinsic class definitions of the start-up class list, in order.
void RegisterIntrinsicClasses();
