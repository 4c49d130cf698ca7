#pragma once
// The test sky the window benchmarks open: 16-bit samples (BZERO 32768)
// around 800 with noise, a bright pixel every 9973, written once per run in
// a folder of its own so that parallel or aborted runs never share a file.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdlib>
#include <random>

inline QString CielEssai(int cote, int graine)
{
    static QTemporaryDir dossier;
    const QString nom = dossier.filePath(QStringLiteral("ciel_%1_%2.fit").arg(cote).arg(graine));
    if (QFile::exists(nom))
        return nom;
    QByteArray entete;
    auto carte = [&entete](const QByteArray& texte) { entete += texte.leftJustified(80, ' '); };
    carte("SIMPLE  =                    T");
    carte("BITPIX  =                   16");
    carte("NAXIS   =                    2");
    carte("NAXIS1  = " + QByteArray::number(cote).rightJustified(20, ' '));
    carte("NAXIS2  = " + QByteArray::number(cote).rightJustified(20, ' '));
    carte("BZERO   =                32768");
    carte("END");
    entete = entete.leftJustified(2880, ' ');
    const qsizetype n = static_cast<qsizetype>(cote) * cote;
    QByteArray donnees(2 * n, '\0');
    std::mt19937 alea(graine);
    std::normal_distribution<double> bruit(800.0, 30.0);
    for (qsizetype i = 0; i < n; ++i) {
        double v = bruit(alea);
        if (i % 9973 == graine)
            v = 40000;
        const int brut = static_cast<int>(v) - 32768;
        donnees[2 * i] = static_cast<char>((brut >> 8) & 0xFF);
        donnees[2 * i + 1] = static_cast<char>(brut & 0xFF);
    }
    QFile f(nom);
    if (!dossier.isValid() || !f.open(QIODevice::WriteOnly))
        std::abort();
    f.write(entete);
    f.write(donnees.leftJustified(((entete.size() + donnees.size() + 2879) / 2880) * 2880 - entete.size(), '\0'));
    return nom;
}
