// What the tracks of a zoom chain say about the sequence: the tracks that do not move with the
// zoom (overlays, leaves, mismatches), a camera that turned, a camera that moved.
#pragma once

#include <optional>
#include <vector>

#include "measure/scene_chain.h"

namespace zirt {

// The lens step of each neighbouring pair (order[j] onto order[j + 1]) fitted to the tracks seen
// in both, with a radial factor; nullopt for a pair with too few tracks in common.
std::vector<std::optional<LensStep>> FitSteps(const std::vector<std::vector<ImagePoint>>& positions,
                                              const SceneChain& chain);

// Marks in `aside` every track that lies off one of `steps` by more than a tenth of a pixel
// (scaled by the step) and six times the step's median misfit: one image's position off is
// enough to set the whole track aside.
void SetAsideMisfits(const std::vector<std::vector<ImagePoint>>& positions, const SceneChain& chain,
                     const std::vector<std::optional<LensStep>>& steps, std::vector<char>& aside);

// The image that turned most against its neighbours in the zoom, by how much (degrees); the
// image shared by two steps that turn, otherwise the narrower image of the step.
struct Turned {
  std::size_t image = 0;
  double degrees = 0;
};
std::optional<Turned> MostTurned(const SceneChain& chain,
                                 const std::vector<std::optional<LensStep>>& steps);

// The share of tracks (of those that move more than a pixel) whose line passes within 2% of
// the image's diagonal of one common point; below one half, with `without_each`, the image
// without which the share is largest.
struct CommonShare {
  double share = 1;
  std::size_t worst = 0;
};
CommonShare CommonCentreShare(const std::vector<std::vector<ImagePoint>>& positions,
                              const std::vector<char>& aside, double diagonal,
                              bool without_each = true);

}  // namespace zirt
