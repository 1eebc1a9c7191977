// A loadable binary that exports no plug-in entry.
extern "C" int notAnEntry() { return 0; }
