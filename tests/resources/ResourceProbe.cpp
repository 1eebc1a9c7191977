// A DLL that carries nothing but the plug-in's resources, so their layout in
// a real PE file can be checked without the plug-in itself.
extern "C" __declspec(dllexport) int briskoResourceProbe() { return 1; }
