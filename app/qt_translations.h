#pragma once

class QLocale;
class QTranslator;

namespace kerfolio {

// Qt's own texts (the context menu of a text field, the buttons of a message box) in the language of
// locale, from the translations installed with Qt. The program's own texts are not touched. Returns
// the translator now installed, or nullptr when Qt has none for that language.
QTranslator* InstallQtTranslations(const QLocale& locale);

}  // namespace kerfolio
