#pragma once
// Qt's own texts (the standard buttons of message boxes, the file dialogs) in the language of the
// message table, so a Japanese window never shows an English "Yes" or "Save As". The catalogues
// come from Qt's translations folder (Debian: qt6-translations-l10n); without them Qt's English
// texts stay, which is all a missing package can cost.

#include "messages/messages.h"

namespace vq {

// Installs Qt's catalogue for `language` on the running application, replacing the one an
// earlier call installed; English removes it. True when Qt's texts now follow `language`
// (always for English; for Japanese only when the catalogue was found).
bool installQtTranslations(Language language);

}  // namespace vq
