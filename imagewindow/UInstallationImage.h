#pragma once
// Plugs the image window into the frame: the factory that creates image
// windows and the frame's commands that reach them. The start-up calls it
// once, right after creating the frame.
class TMain;
class TTraitementImage;

void InstallerFenetresImage(TMain& cadre);

// The frame's active document window when it is an image window.
TTraitementImage* FenetreImageActive(const TMain& cadre);
