// OrkeAuBase's vector-unit answer, from the process-wide cache.
#include "CAVectorUnit.h"
#include "OrkeAuBase.h"

bool OrkeAuBase::HasVectorUnit() {
    SInt32 type = CAVectorUnit::sVectorUnitType;
    if (type == CAVectorUnit::kVectorUnitUnknown) {
        type = CAVectorUnit::CheckVectorUnit();
    }
    return type > 0;
}
