#pragma once
// Writing a FIT image as a standard 16-bit FITS file, and the scaling its
// samples are written with.
#include "UFit.h"

// Writes a standard 16-bit FITS file that fitsverify accepts, through a
// temporary file renamed over the target at the end (a failed save leaves the
// old file and the image's header untouched). The header written, which
// becomes the image's: SIMPLE, BITPIX 16, NAXIS 2, NAXIS1, NAXIS2 first (kept
// as they are when already so, values included); BSCALE and BZERO as
// EchelleEnregistrementFit gives them, written as other readers read them;
// CHECKSUM, DATASUM and the cards of a third or further axis dropped; the
// program cards rebuilt, STL_TRFT with a decimal point; printable ASCII only;
// "END" last. The data is padded with zero bytes to a multiple of 2880.
void EnregistrerFit(THistoFit& image, const QString& nom);

// The BSCALE and BZERO that EnregistrerFit writes for the image under this
// header, the first that holds every pixel:
// - the header's own, when the reader accepts them, every pixel's sample fits
//   16 bits under them and comes back at least as near as under the scaling
//   below (an image read under them comes back unchanged);
// - BSCALE 1 (BZERO 32768 when Max rounds to 32768 or more, none below) when
//   every pixel rounds into 0..65535 and either all are whole numbers (exact)
//   or they span 256 whole units or more (rounded to units);
// - otherwise BSCALE and BZERO that spread Min..Max over the 65536 samples,
//   so every pixel comes back within half a step, (Max - Min) / 65535 / 2.
void EchelleEnregistrementFit(const THistoFit& image, const QStringList& entete, double& bscale, double& bzero);
