/* VD_Inv.h compiled as C, as a host written in C includes it: its layout checks run here on the
 * C compiler, and with the build's 32-bit variants where there are any. */
#include "VD_Inv.h"

const char* const kVdinvExportNames[] = VDINV_EXPORT_NAMES;

/* One pointer per export name. */
VDINV_STATIC_ASSERT(sizeof(VdInvExports) == sizeof kVdinvExportNames / sizeof kVdinvExportNames[0] *
                                                sizeof(VdInv_IniDriver_Fn),
                    "VdInvExports: one pointer per name");
