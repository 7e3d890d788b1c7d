#include "ParamTarget.h"

ParamTarget::~ParamTarget() = default;
