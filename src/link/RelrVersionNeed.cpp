// Linked into the service only when its relative relocations are packed
// (DT_RELR). The dynamic loader refuses such a binary unless it names the C
// library's GLIBC_ABI_DT_RELR version; lld 14 does not add that dependency
// itself, so this reference to the version's own symbol does.
extern "C" char GLIBC_ABI_DT_RELR[];
extern "C" char* const weather_relr_version_need = GLIBC_ABI_DT_RELR;
