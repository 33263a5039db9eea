// A host hook module that offers only one of the six entries.
extern "C" __attribute__((visibility("default"))) void PreloadKeysIntoAgent() {}
