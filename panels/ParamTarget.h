#pragma once

#include "ParameterSearch.h"

// Receiver of a term's value found by an analysis panel (the main dialog
// writes it back into the term's field, in the field's units).
class ParamTarget
{
public:
    virtual ~ParamTarget();
    virtual void applyParamValue(Param term, double value) = 0;
};
