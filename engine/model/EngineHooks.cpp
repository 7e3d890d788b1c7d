#include "EngineHooks.h"

ProgressHook progress_part(const ProgressHook& whole, double start, double share)
{
    return [whole, start, share](double fraction) { return !whole || whole(start + share * fraction); };
}
