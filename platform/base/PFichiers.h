#pragma once
// File access with the class library's error behaviour: every failure throws
// EErreurFichier with its French text. Writes never leave a half-written file
// under the target name.
#include <QByteArray>
#include <QString>
#include <functional>

class QIODevice;

// Whole file in one block.
QByteArray LireFichierComplet(const QString& nom);

// Writes through a temporary file in the same folder, renamed over the target
// only when everything is written; on failure the old file stays as it was.
void EcrireFichierSur(const QString& nom, const std::function<void(QIODevice&)>& ecrire);
void EcrireFichierSur(const QString& nom, const QByteArray& contenu);

// Code of the class library for a file that cannot be opened for reading.
int CodeErreurOuverture(const QString& nom);
