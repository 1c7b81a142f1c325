#include "view/view_state.h"

ViewStateFields ViewState;
