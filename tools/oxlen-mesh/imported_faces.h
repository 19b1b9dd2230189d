#pragma once

#include <vector>

#include <Oxlen/Cad/Import.h>

#include "model_pipeline.h"

namespace oxlen_mesh {

/// The faces of an imported model as the pipeline takes them, with their fin tags; they point into
/// `model`, which must outlive them.
std::vector<MModelFace> PipelineFaces(const Oxlen::Cad::MCadImport::MModel& model);

/// The pipeline's settings for an imported model at a chordal tolerance: the stitching tolerance
/// from that tolerance and the largest tolerance the file gives a face, its edges and vertices;
/// everything else as `MPipelineSettings` has it.
MPipelineSettings PipelineSettings(const Oxlen::Cad::MCadImport::MModel& model, double tolerance);

}  // namespace oxlen_mesh
