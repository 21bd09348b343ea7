// SPDX-License-Identifier: MIT
// The toolkit's own words (the message boxes' buttons, the file dialogs, the
// edit boxes' menus) in the interface's language.
#pragma once

class QTranslator;

// Loads the toolkit's Japanese catalogue from its translations folder and
// installs it in the running application; nothing when the catalogue is
// missing (those words then stay in the toolkit's English). Returns the
// installed translator (owned by the application), or null.
QTranslator* InstallToolkitWords();
