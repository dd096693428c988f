#include "app/RuntimeMain.h"

int main(int argc, char** argv) { return RuntimeMain(argc, argv); }
