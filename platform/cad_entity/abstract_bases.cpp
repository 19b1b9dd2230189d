// Out-of-line destructors anchor the virtual tables of the abstract CAD entity classes in the
// library.
#include "Oxlen/CadEntity/MCAD2DVCurve.h"
#include "Oxlen/CadEntity/MCAD3DVUVSurfaceCurve.h"

MCAD3DVUVSurfaceCurve::~MCAD3DVUVSurfaceCurve() = default;
MCAD2DVCurve::~MCAD2DVCurve() = default;
