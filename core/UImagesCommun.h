#pragma once
// Small pieces shared by UImages and UArithmetique only.
#include "UFit.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace ImagesCommun {

inline int64_t NombrePixels(const THistoFit& image)
{
    return static_cast<int64_t>(image.XMax + 1) * (image.YMax + 1);
}

} // namespace ImagesCommun
