#pragma once
// Translation of a form's texts.
#include <functional>

#include "orv00006/dll/export.h"

namespace plat {
class TForm;
}

namespace dll {

using Tradutor = std::function<void(plat::TForm*)>;

// Translates the texts of a form. Without an installed translator the texts
// stay as designed (they are already in the operator's language).
DLL_API void Trad(plat::TForm* form);
DLL_API void SetTradutor(Tradutor tradutor);

}  // namespace dll
