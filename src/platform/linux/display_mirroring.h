#pragma once

#include <QRect>
#include <vector>

// Whether some display shows what another shows: two active outputs whose
// areas of the screen overlap. Side-by-side layouts never overlap; clone
// mode puts outputs on the same area, even at different resolutions, where
// the smaller one shows part of the larger.
bool tonnixOutputsMirrored(const std::vector<QRect>& outputs);
