#pragma once
// The help viewer. On Windows a compiled help file is shown by the HTML
// Help control; here by a CHM viewer program found on the PATH (xchm first,
// then kchmviewer). "Loaded" means a viewer was found. Requests start the
// viewer detached, its arguments passed as a list: the program never waits
// for it and no shell ever reads the file name.
#include <QString>
#include <QStringList>
#include <cstdint>

// The HTML Help commands the program sends.
enum : int { HH_DISPLAY_TOC = 1, HH_HELP_CONTEXT = 15 };

// Full path of the viewer program, or empty when none is on the PATH.
QString LocaliserHHCtrl();
// Finds the viewer when none is loaded yet.
void ChargerHHCtrl();
void LibererHHCtrl();
bool HHCtrlCharge();
QString ProgrammeHHCtrl();

// The viewer's arguments for a request: the contents ("xchm <file>") or a
// topic by context number ("xchm -c <n> <file>"); kchmviewer has no context
// option and shows the file.
QStringList ArgumentsHtmlHelp(const QString& programme, const QString& fichier, int commande, intptr_t donnee);
// Starts the loaded viewer for the request; false when it could not start.
bool HtmlHelpA(intptr_t appelant, const QString& fichier, int commande, intptr_t donnee);
