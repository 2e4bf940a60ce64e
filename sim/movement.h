// Movement: one simulation step of one rider in 2-unit sub-steps, and the crash countdown.
#pragma once

// The frame step calls this for every rider in index order, once per repaint.
void moveRider(int rider);
