// Compiled as part of a lower component by the layering checks: includes the header named by
// OXLEN_PROBE_HEADER, which compiles only when that header belongs to the component or to one it
// depends on.
#include OXLEN_PROBE_HEADER

int oxlen_layering_probe();
