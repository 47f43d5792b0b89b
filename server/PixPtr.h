#pragma once

#include <leptonica/allheaders.h>
#include <memory>

namespace lumeno {

struct PixDeleter
{
    void operator()(Pix *pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<Pix, PixDeleter>;

} // namespace lumeno
