#include "platform/qt/SystemLanguage.h"

#include <QLocale>

namespace platform {

bool SystemLanguageIsJapanese() {
    return QLocale::system().language() == QLocale::Japanese;
}

} // namespace platform
