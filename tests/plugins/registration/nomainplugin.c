/* A library without QUORPluginMain: it cannot be entered. */
int NotAnEntry(void) { return 0; }
