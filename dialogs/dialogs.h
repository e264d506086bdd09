// The program's dialogs, each modal over the main window: about box, "Goto Position",
// "Copy Paste", "Analysis Options", and the file chooser for puzzles. Each returns the id of the
// button that closed it (DIALOG_OK, DIALOG_CANCEL, DIALOG_INPUT); their rules are the core's.
#pragma once
#include <QIcon>
#include <QString>

struct Session;

class QWidget;

// The program's icon at every size it is drawn in.
QIcon ProgramIcon();

// A notice with an OK button, captioned with the program's name.
int RunMessageDialog(QWidget* owner, const QString& text);
// A question with Yes and No (No the default); 1 for Yes.
int RunQuestionDialog(QWidget* owner, const QString& text);
int RunAboutDialog(QWidget* owner);
int RunGotoDialog(Session* S, QWidget* owner);
int RunBlockEntryDialog(Session* S, QWidget* owner);
int RunAnalysisOptionsDialog(Session* S, QWidget* owner);
int RunStatisticsDialog(Session* S, QWidget* owner);
// "Practice": the technique to practise, from those PracticeAllowed lets through, proposed as
// the one chosen last; OK stores it in S->Practice.
int RunPracticeDialog(Session* S, QWidget* owner);

// The Open or Save dialog for puzzle files ("Text (*.txt)"), starting at proposed (a bare
// name starts in the documents folder). Returns the full path chosen, or "" when cancelled.
QString ChooseTextFile(QWidget* owner, bool save, const QString& proposed, bool overwritePrompt);
// Where file dialogs start: the user's documents folder, else the home folder.
QString DocumentsFolder();
