#pragma once

#include <QByteArray>

// The built-in English language pack (lang/builtin/English.lan, compiled into the program):
// [SkinRes], [LibRes], [AppRes] and one section per form class. Its form sections are
// harvested from the forms by varnelo-lang-harvest; a test fails when they are stale.
QByteArray BuiltInEnglishPack();
