#pragma once
// A fixture: two units of one folder that include each other, and one that reaches a layer above.
void Alpha();
