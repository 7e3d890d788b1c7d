#pragma once

// Receiver of a parameter value found by an analysis panel (the main dialog
// writes it back into the field of parameter index 0..5).
class ParamTarget
{
public:
    virtual ~ParamTarget();
    virtual void applyParamValue(int index, double value) = 0;
};
