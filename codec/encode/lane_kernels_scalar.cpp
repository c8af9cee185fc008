// The lane algorithm on one plain lane: portable, and the lane paths'
// reference in the tests on every processor.
#include "encode/lane_encoder.h"

static constexpr LaneKernels kScalarKernels = laneKernels<ScalarLanes>("scalar");

const LaneKernels& scalarLaneKernels() { return kScalarKernels; }

