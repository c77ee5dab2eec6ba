// Shrinking an option picture by area averaging, at the sizes the settings window asks for between stored scales.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/base/area_resample.h"
#include "core/dialog/option_picture_scales.h"

namespace {

// From the stored scale to the size between it and the next smaller one: 110 %, 225 %, 350 %, 450 %.
void BM_ShrinkOptionPicture(benchmark::State& state)
{
    const auto percent = static_cast<int32_t>(state.range(0));
    const auto from = static_cast<int32_t>(state.range(1));
    const nivora::PictureSize stored = nivora::storedPictureSize(from);
    const nivora::PictureSize wanted{nivora::kRowWidth * percent / 100, nivora::kRowHeight * percent / 100};
    // Stripes of ink and background, so the sums are not all of one value.
    std::vector<nivora::Pixel> source(static_cast<size_t>(stored.width) * static_cast<size_t>(stored.height));
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = i % 7 < 3 ? 0xFFFFFFFFu : 0xFF805AFFu;
    std::vector<nivora::Pixel> target(static_cast<size_t>(wanted.width) * static_cast<size_t>(wanted.height));
    for (auto _ : state) {
        nivora::resampleByArea(nivora::ConstSurface(source.data(), stored.width, stored.height, stored.width),
                               nivora::Surface{target.data(), wanted.width, wanted.height, wanted.width});
        benchmark::DoNotOptimize(target.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(target.size()));
}
BENCHMARK(BM_ShrinkOptionPicture)->Args({110, 125})->Args({225, 250})->Args({350, 400})->Args({450, 500});

}  // namespace
