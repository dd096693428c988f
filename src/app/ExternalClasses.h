// The application's first call: registers the intrinsic classes, builds the global-function
// table, then registers the class library, so that class names and global functions resolve
// before compiled code uses them. The order is StartupOrder.h's.
#pragma once

extern "C" void RuntimeInitExternalClasses();
