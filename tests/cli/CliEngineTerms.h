#pragma once

#include "PDEParams.h"
#include "SnowballContract.h"

#include <QStringList>

// A structure given to kelvara-cli as engine terms (--obs-times, no
// calendar), and the same terms written out by hand for the engine.
const QStringList& engineTermArgs();
SnowballContract engineTermsContract();
PDEParams engineTermsParams();
