#include "output/filter_bar.h"

#include "decode/session.h"
#include "query/display_filter.h"

namespace kestle {

FilterOutcome ApplyDialogAndExpression(CaptureSession& s, const FilterChoice* dialog,
                                       const FilterExpression* expression) {
  if (!dialog && !expression) {
    ClearFilter(s);
    FilterOutcome r;
    r.Applied = true;
    r.Shown = s.VisibleCount;
    return r;
  }
  const FilterChoice every;
  if (!expression) return ApplyFilter(s, *dialog);
  const BoundFilter bound(*expression, s);
  return ApplyFilter(s, dialog ? *dialog : every, [&](uint32_t n) { return bound.Matches(n); });
}

}  // namespace kestle
