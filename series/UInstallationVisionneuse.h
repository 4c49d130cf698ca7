#pragma once
// Plugs the viewer into the frame: "Visionneuse" of the Outils menu, and the
// frame's commands that reach the active viewer. The start-up calls it once,
// after the image windows are installed.
class TMain;

void InstallerVisionneuse(TMain& cadre);
