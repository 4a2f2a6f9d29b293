#include "app/update_flags.h"

#include "model/instrument.h"
#include "model/text_rules.h"

namespace vq {

void PrepareUpdateFlags(clsInstrument& model, bool idOnly) {
    if (idOnly) {
        model.SetChangeFlags(false, true);
        return;
    }
    const auto libraryFlags = model.Change_LSData;
    model.SetChangeFlags(true, false);
    model.Change_LSData = libraryFlags;
    const bool libraryChanged = libraryFlags[0] || libraryFlags[1];
    const bool carried = TrimText(model.GasName(0)) == TrimText(model.LS_Name(0)) ||
                         TrimText(model.GasName(4)) == TrimText(model.LS_Name(1));
    if (libraryChanged && carried) model.Change_LSData = {true, true};
}

}  // namespace vq
