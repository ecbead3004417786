// The filter bar beside the filter dialog: the frames shown are those both
// select (the dialog's choice, when one is in force, and the bar's
// expression, when one is given), in frame number order, as the dialog's
// OK shows them.
#pragma once

#include <cstdint>

#include "output/filter.h"

namespace kestle {

class FilterExpression;

// Shows the frames that `dialog` (nullptr: none) and `expression` (nullptr:
// none) both select. With neither, every frame is shown again. When no
// frame is selected nothing changes and Applied is false.
FilterOutcome ApplyDialogAndExpression(CaptureSession& s, const FilterChoice* dialog,
                                       const FilterExpression* expression);

}  // namespace kestle
