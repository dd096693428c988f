// The drawing focus: the pane whose Graphics is current. Detached before anything modal.
#pragma once

void ClearDrawFocus();
