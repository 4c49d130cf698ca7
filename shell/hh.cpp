#include "hh.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {
QString Programme; // the "module": empty while not loaded
const char* const Visionneuses[] = {"xchm", "kchmviewer"};
} // namespace

QString LocaliserHHCtrl()
{
    for (const char* nom : Visionneuses) {
        const QString chemin = QStandardPaths::findExecutable(QString::fromLatin1(nom));
        if (!chemin.isEmpty())
            return chemin;
    }
    return {};
}

void ChargerHHCtrl()
{
    if (Programme.isEmpty())
        Programme = LocaliserHHCtrl();
}

void LibererHHCtrl() { Programme.clear(); }

bool HHCtrlCharge() { return !Programme.isEmpty(); }

QString ProgrammeHHCtrl() { return Programme; }

QStringList ArgumentsHtmlHelp(const QString& programme, const QString& fichier, int commande, intptr_t donnee)
{
    if (commande == HH_HELP_CONTEXT && QFileInfo(programme).fileName() != QLatin1String("kchmviewer"))
        return {QStringLiteral("-c"), QString::number(donnee), fichier};
    return {fichier};
}

bool HtmlHelpA(intptr_t /*appelant*/, const QString& fichier, int commande, intptr_t donnee)
{
    if (Programme.isEmpty())
        return false;
    return QProcess::startDetached(Programme, ArgumentsHtmlHelp(Programme, fichier, commande, donnee));
}
