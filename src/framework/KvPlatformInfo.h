#pragma once

#include <QLocale>
#include <QString>

// Facts about the machine that the installation query string reports.

// "major_minor_release": the kernel's major and minor version and the distribution's name
// (at most 128 characters), e.g. "6_1_Debian GNU/Linux 12 (bookworm)".
QString OsVersionText();
// The 16-bit language identifier of the locale, in the numbering the maker's server knows
// (primary language in the low 10 bits, sub-language above); 0 for a language it lacks.
int SystemLanguageId(const QLocale& locale = QLocale::system());
