#pragma once
// Plugs the preprocessing window into the frame: "Prétraitement" of the tools
// menu creates one. The start-up calls it once, after the image windows.
class TMain;
class TPretraitement;

void InstallerPretraitement(TMain& cadre);

// Creates a preprocessing window in the frame, shown, the menus refreshed.
TPretraitement* CreerFenetrePretraitement(TMain& cadre);
