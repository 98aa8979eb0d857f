// Asks the plug-in's framework, as built for this processor, whether the processor has a vector unit, through
// the real system query, and compares the answer with the expected one given as the only argument (1 or 0).
// CTest runs it under qemu-ppc twice: on the default processor (no AltiVec) and with QEMU_CPU=7400 (a G4).
#include "CAVectorUnit.h"
#include "OrkeIdlewire.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2 || (std::strcmp(argv[1], "0") != 0 && std::strcmp(argv[1], "1") != 0)) {
        std::fprintf(stderr, "usage: %s 0|1\n", argv[0]);
        return 2;
    }
    const bool expected = argv[1][0] == '1';

    OrkeIdlewire plugin(nullptr);
    const bool found = plugin.HasVectorUnit();
    const SInt32 type = CAVectorUnit::sVectorUnitType;
    std::printf("vector unit %s (type %d), expected %s\n", found ? "present" : "absent",
                static_cast<int>(type), expected ? "present" : "absent");
    // The PowerPC build knows only AltiVec (1) and none (0); the Intel build SSE3 (101), SSE2 (100) and none.
    const bool typeFits =
        orke::kPowerPcBehaviour ? type == (found ? 1 : 0) : (found ? type >= 100 : type == 0);
    return found == expected && typeFits ? 0 : 1;
}
