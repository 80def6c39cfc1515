#pragma once
namespace KORA {
class CValueMap;
}

namespace VORNE {

// Removes what a user never edits from a graph's parameter map: run bookkeeping (keys longer than two
// characters that begin with "__") and every entry whose meta data marks it "unused". The main window
// and the headless runner show and merge the same parameters because both use this.
void removeHiddenParameters(KORA::CValueMap& parameters);

} // namespace VORNE
