#pragma once

#include <leptonica/allheaders.h>
#include <memory>

namespace lumeno {

// Owning pointers for Leptonica's objects, which are freed through their own destroy functions.
struct LeptonicaDeleter
{
    void operator()(Pix *pix) const { pixDestroy(&pix); }
    void operator()(Box *box) const { boxDestroy(&box); }
    void operator()(Boxa *boxa) const { boxaDestroy(&boxa); }
    void operator()(Numa *numa) const { numaDestroy(&numa); }
};
using PixPtr = std::unique_ptr<Pix, LeptonicaDeleter>;
using BoxPtr = std::unique_ptr<Box, LeptonicaDeleter>;
using BoxaPtr = std::unique_ptr<Boxa, LeptonicaDeleter>;
using NumaPtr = std::unique_ptr<Numa, LeptonicaDeleter>;

} // namespace lumeno
