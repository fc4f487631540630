#pragma once

class QMenu;

// Every menu of the viewer gets the windows' dark look.
void applyMenuStyle(QMenu *menu);
