#pragma once
// Help for the frame and the image windows: the file "Stelor.chm" in the
// program's folder, shown by the help viewer (hh.h). Both requests check
// again each time, so a file or a viewer installed during the run is found.
#include <QString>
#include <cstdint>

// The help file's full path; FixerFichierAide points it elsewhere (tests),
// an empty name goes back to the program's folder.
QString FichierAide();
void FixerFichierAide(const QString& nom);

// True when help can be shown; otherwise shows why (the file is missing, or
// no viewer is installed) and returns false.
bool VerifierAide();
// The table of contents ("Documentation", F1 in the frame).
void AfficherAide();
// A window's help handler: shows the topic of context number `donnee`
// whatever the command; false (appelerAide untouched) when help cannot be shown.
bool AfficherAideContexte(int commande, intptr_t donnee, bool& appelerAide);
