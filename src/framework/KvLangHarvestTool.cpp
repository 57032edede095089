// varnelo-lang-harvest [PACK]: regenerates the form sections of the built-in English pack
// (by default lang/builtin/English.lan of the source tree) from the forms themselves.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

#include "framework/KvLanguageForms.h"
#include "framework/KvSettings.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Building the forms must not touch the user's settings.
    QTemporaryDir data;
    for (const char* name : {"VARNELO_APPDATA_DIR", "VARNELO_COMMON_APPDATA_DIR", "VARNELO_DESKTOP_DIR",
                             "VARNELO_AUTOSTART_DIR", "VARNELO_USER_REG_DIR", "VARNELO_MACHINE_REG_DIR"}) {
        const QString folder = data.path() + u'/' + QString::fromLatin1(name);
        QDir().mkpath(folder);
        qputenv(name, folder.toLocal8Bit());
    }
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString pack = args.size() > 1 ? args[1] : QStringLiteral(VARNELO_ENGLISH_PACK);
    QString error;
    const bool ok = RegenerateEnglishPack(pack, error);
    ReleaseSettingsStore();
    QTextStream err(stderr);
    if (!ok) {
        err << "varnelo-lang-harvest: " << error << Qt::endl;
        return 1;
    }
    err << "varnelo-lang-harvest: wrote " << pack << Qt::endl;
    return 0;
}
