// The window title: the open file's name, with the collection puzzle's number while one is shown.
#pragma once

struct Session;

// "{name} #n" while collection puzzle n - 1 is shown, "{name}" for another open file, else
// "{not saved}", with "Practice: " and the technique after it while the puzzle "Practice" made
// is the game. The name is the part of the path after its last '/'. Writes at most size bytes.
void TitleText(Session* S, char* out, int size);
