#include "dialogs/dialog_values.h"

namespace app {

DialogValues& Values()
{
    static DialogValues values;
    return values;
}

} // namespace app
