#pragma once
// Plugs the tricolour window into the frame: its hidden "Trichromie RVB"
// item creates one. The start-up calls it once, after the image windows.
class TMain;
class TTrichromieRVB;

void InstallerTrichromie(TMain& cadre);

// A new tricolour window in the frame, shown and numbered.
TTrichromieRVB* CreerFenetreTrichromie(TMain& cadre);
