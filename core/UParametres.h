#pragma once
// The settings file "Stelor.ini". Nothing is cached: every read goes to the
// file and every write goes straight to it. A missing file, key or a value
// that does not convert (or lies outside what its key allows) reads as the
// key's default; a refused write raises EErreurFichier.
#include "UOutils.h"

#include <QString>
#include <cstdint>
#include <functional>

// Default tables of the indexed families (index 1..5 -> entry 0..4).
extern const double SigmasParDefaut[5];       // 0.7, 1.0, 1.2, 1.5, 1.8
extern const double CoefficientsParDefaut[5]; // 1.0, 1.4, 1.8, 2.2, 2.6

// Opening: beside the program when a file is there (even read-only: it is
// read, and a refused write raises the file error) or its folder is writable,
// otherwise ~/.config/Stelor/Stelor.ini.
void OuvrirPreferences();
void FermerPreferences();
bool PreferencesOuvertes();
// Points the store at another file (tests, or a chosen location); opens it.
void FixerFichierPreferences(const QString& nom);
QString FichierPreferences();
// Where OuvrirPreferences puts the file; the same rule for another program folder.
// Tests give each test a folder of its own to stand for the program's (empty:
// the program's own), so that no two tests share a file.
QString EmplacementPreferencesParDefaut();
QString EmplacementPreferences(const QString& dossierProgramme);
void FixerDossierPreferencesEssai(const QString& dossier);

// What to tell the user, once, when the file exists but cannot be read (it is
// then never written over); empty otherwise, or once told. A write tells it
// too when nothing did before.
QString AvertissementPreferences();

// Whether a file (or a folder) may be written; every check of the store goes
// through it. Root writes read-only files, so a test steers it with
// FixerTestModifiable (an empty function restores the file system's answer).
bool FichierModifiable(const QString& nom);
void FixerTestModifiable(std::function<bool(const QString&)> test);

// Getters, with the built-in default.
bool LireDefilImgTpsReel();         // true
int32_t LireOffsetDetectEtoiles();  // 1000 (not negative)
int32_t LireReglSeuilsVisu();       // 60 (1..100000: a divisor)
TCouleur LireCoulFondApp();         // clAppWorkSpace
int32_t LireCodageImagesFits();     // 16 (1..31)
bool LireConfigLente();             // false
int32_t LireLargMatriceCentroide(); // 5 (2..1001: a window of 0 pixels has no mean)
bool LireTranslationFract();        // true
double LireSigmaMasqueFlou(int i);  // i = 1..5, SigmasParDefaut (0,2..100)
double LireCoefMasqueFlou(int i);   // i = 1..5, CoefficientsParDefaut (0..1000)
double LireSigmaGaussien(int i);    // i = 1..5, SigmasParDefaut (0,2..100)

// Setters.
void EcrireDefilImgTpsReel(bool valeur);
void EcrireOffsetDetectEtoiles(int32_t valeur);
void EcrireReglSeuilsVisu(int32_t valeur);
void EcrireCoulFondApp(TCouleur valeur);
void EcrireParametresMasqueFlou(double sigma1, double sigma2, double sigma3, double sigma4, double sigma5,
                                double coef1, double coef2, double coef3, double coef4, double coef5);
void EcrireSigmasGaussien(double sigma1, double sigma2, double sigma3, double sigma4, double sigma5);

// Writes the defaults of every key that has a setter; read-only keys stay.
void ReinitialiserPreferences();

// Raw access to the file, for keys the table above does not name.
QString LireValeurIni(const QString& section, const QString& cle, const QString& defaut = {});
void EcrireValeurIni(const QString& section, const QString& cle, const QString& valeur);
