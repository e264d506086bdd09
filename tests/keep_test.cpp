// Games in progress kept in the state folder: a game replaced or left comes back exactly from
// "Recent Games" or at the next start, and games played by a process killed at random points
// are all there, each as it was after the last input or the one in progress, with no file
// left half-made.
#include "control/commands.h"
#include "control/keep.h"
#include "control/session.h"
#include "control/taps.h"
#include "exactcover/generator.h"
#include "files/gamestore.h"
#include "files/settings.h"
#include "model/board.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/verdicts.h"
#include "tests/support.h"
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <map>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Everything a kept game must bring back, the clock left out, as text to compare.
std::string GameState(const Game* G) {
    std::string s;
    for (int i = 0; i < 81; i++) s += char('a' + (G->Board[i] & 0x3F)); // digit, colour, entered
    s += '|';
    for (int j = 0; j < G->MoveEnd; j++) s += std::to_string(G->MoveHistory[j]) + ",";
    s += "|" + std::to_string(G->MovePos) + "/" + std::to_string(G->MoveEnd) + "|";
    for (int k = 0; k <= G->MoveEnd; k++) {
        const DigitMask* marks = MarksOfPosition(G, k);
        s += marks ? "" : "-";
        for (int i = 0; marks && i < 81; i++)
            if (G->Board[i] == 0 || k != G->MovePos) s += std::to_string(marks[i]) + ".";
        s += "|";
    }
    return s + G->CurrentFile + "#" + std::to_string(G->CollectionIndex);
}

class Keep : public FileTest {
  protected:
    void SetUp() override {
        FileTest::SetUp();
        SetStateFolder(Path("state").c_str());
        SetSettingsPath(Path("quadrivo.ini").c_str());
    }
    void TearDown() override {
        SetStateFolder("");
        FileTest::TearDown();
    }
    // A tap on digit position d of cell.
    static void Tap(int cell, int d) {
        StylusDown(S, BoardSpot{cell, d, -1});
        StylusUp(S, BoardSpot{cell, d, -1});
    }
    // Entries, marks and an undo on the sample puzzle, as a player makes them.
    static void PlayAFewMoves() {
        int open[6], n = 0;
        for (int i = 0; i < 81 && n < 6; i++)
            if (S->Board[i] == 0) open[n++] = i;
        RunCommand(S, CMD_PENCIL_MARKS);
        Tap(open[0], 2);
        Tap(open[1], 4);
        RunCommand(S, CMD_PENCIL_MARKS);
        for (int k = 2; k < 5; k++) Tap(open[k], (S->SolutionGrid[open[k]] & CELL_DIGIT) - 1);
        RunCommand(S, CMD_UNDO);
        RunCommand(S, CMD_PENCIL_MARKS);
        Tap(open[5], 6); // a mark made after the last move
        RunCommand(S, CMD_PENCIL_MARKS);
    }
    // A pencil mark on the first open cell: the game is touched, so it is kept.
    static void MarkAnOpenCell() {
        const int cell = FirstOpenCell();
        RunCommand(S, CMD_PENCIL_MARKS);
        Tap(cell, 0);
        RunCommand(S, CMD_PENCIL_MARKS);
    }
    // The entry of "Recent Games" that holds the game kept under name, -1 when none.
    static int RecentEntry(const char* name) {
        char text[512];
        for (int k = 0; RecentGameText(S, k, text, sizeof text); k++)
            if (std::strcmp(S->Recent[k].name, name) == 0) return k;
        return -1;
    }
    std::vector<std::string> FolderNames(const std::string& folder) {
        std::vector<std::string> names;
        if (DIR* dir = opendir(folder.c_str())) {
            while (const dirent* e = readdir(dir))
                if (e->d_name[0] != '.') names.push_back(e->d_name);
            closedir(dir);
        }
        return names;
    }
};

TEST_F(Keep, AReplacedGameComesBackExactlyFromRecentGames) {
    LoadGivens(SAMPLE_PUZZLE);
    CheckPosition(S);
    std::snprintf(S->CurrentFile, sizeof S->CurrentFile, "%s", Path("list [1].txt").c_str());
    S->CollectionIndex = 41, S->CollectionCount = 100;
    PlayAFewMoves();
    for (int t = 0; t < 75; t++) ClockTick(S);
    const std::string played = GameState(S);
    const std::string name = S->KeptName;
    ASSERT_FALSE(name.empty());

    RunCommand(S, CMD_NEW); // the new puzzle is set up, then played
    LoadGivens(SAMPLE_PUZZLE);
    RunCommand(S, CMD_SETUP); // played from here
    MarkAnOpenCell();
    EXPECT_STRNE(S->KeptName, name.c_str()); // another game, another file

    const int entry = RecentEntry(name.c_str());
    ASSERT_GE(entry, 0);
    char text[512];
    RecentGameText(S, entry, text, sizeof text);
    EXPECT_NE(std::string(text).find("list [1].txt #42"), std::string::npos) << text;
    EXPECT_NE(std::string(text).find("1:15"), std::string::npos) << text;
    RunCommand(S, CMD_RECENT_FIRST + entry);
    EXPECT_EQ(GameState(S), played);
    EXPECT_EQ(S->GameClock, 75u);
    // Undo and redo go on through the history and marks it came back with.
    RunCommand(S, CMD_BEGIN);
    RunCommand(S, CMD_REDO);
    RunCommand(S, CMD_REDO);
    EXPECT_EQ(GameState(S), played);
}

TEST_F(Keep, StartUpGoesOnFromTheKeptGameWhenTheSettingsFellBehind) {
    LoadGivens(SAMPLE_PUZZLE);
    CheckPosition(S);
    RunCommand(S, CMD_PENCIL_MARKS);
    Tap(0, 3);
    RunCommand(S, CMD_PENCIL_MARKS);
    ASSERT_EQ(SaveSettings(S), 1); // an early exit wrote the settings ...
    PlayAFewMoves();               // ... then the game went on, and the program was killed
    const std::string played = GameState(S);

    ResetForTest();
    SetStateFolder(Path("state").c_str());
    RunCommand(S, CMD_STARTUP);
    EXPECT_EQ(GameState(S), played);
}

TEST_F(Keep, SaveNeverReplacesAnotherFileUnasked) {
    // A collection open, a puzzle pasted over it: the title says the game has no file.
    S->CollectionIndex = -1;
    const std::string other = Write("gameA.txt", "some other game\r\n");
    std::snprintf(S->CurrentFile, sizeof S->CurrentFile, "%s", other.c_str());
    static std::string chosen, asked;
    static int answer;
    static ShellHooks hooks;
    hooks = *S->Hooks;
    hooks.chooseFile = [](void*, int, char* path, int size, bool) {
        std::snprintf(path, size_t(size), "%s", chosen.c_str());
        return 1;
    };
    hooks.askYesNo = [](void*, const char* text) { return asked = text, answer; };
    hooks.runDialog = [](void*, int id) {
        return id == DIALOG_BLOCK_ENTRY ? DIALOG_INPUT : DIALOG_OK;
    };
    SetShellHooks(S, &hooks, S->HookContext);
    RunCommand(S, CMD_BLOCK_ENTRY);
    EXPECT_STREQ(S->CurrentFile, "");

    chosen = other, answer = 0; // Save onto gameA.txt, refused when asked
    RunCommand(S, CMD_SAVE);
    EXPECT_NE(asked.find("gameA.txt"), std::string::npos);
    EXPECT_EQ(ReadBytes(other), "some other game\r\n");
    EXPECT_STREQ(S->CurrentFile, "");

    answer = 1; // agreed: written, and from then on the game's own file
    RunCommand(S, CMD_SAVE);
    EXPECT_NE(ReadBytes(other), "some other game\r\n");
    asked.clear();
    RunCommand(S, CMD_SAVE);
    EXPECT_EQ(asked, ""); // its own file is saved over without a question
}

// ---- Many games, killed at random points ----

constexpr int CHILDREN = 40;
constexpr int GAMES_EACH = 20; // within KEPT_GAMES_MAX: no game of a run is pruned
constexpr int ACTIONS_EACH = 300;

// One scripted player: games created, played with entries, marks, undo and redo, switched
// through "Recent Games", and the clock ticking. After each input it writes a line "ACTION
// GAME STATE" to out (GAME counts the games in the order they were started; STATE the game as
// GameState has it when it is kept, "-" when it is not yet).
void PlayScript(uint32_t seed, FILE* out) {
    std::mt19937 random(seed);
    SeedGenerator(&S->CreateSource, seed);
    std::vector<std::string> names; // game number -> kept name
    int current = -1;
    auto pick = [&random](int n) { return int(random() % uint32_t(n)); };
    for (int action = 0; action < ACTIONS_EACH; action++) {
        const int what = current < 0 ? 0 : pick(100);
        if (what < 7 && int(names.size()) < GAMES_EACH) { // a new game
            RunCommand(S, CMD_CREATE);
            names.push_back("");
            current = int(names.size()) - 1;
        } else if (what < 12 && names.size() > 1) { // another game from "Recent Games"
            const int game = pick(int(names.size()));
            char text[512];
            for (int k = 0; RecentGameText(S, k, text, sizeof text); k++)
                if (names[game] == S->Recent[k].name) {
                    RunCommand(S, CMD_RECENT_FIRST + k);
                    current = game;
                }
        } else if (what < 20) {
            constexpr int NAV[] = {CMD_UNDO, CMD_UNDO, CMD_REDO, CMD_BEGIN, CMD_END};
            RunCommand(S, NAV[pick(5)]);
        } else if (what < 25) {
            RunCommand(S, CMD_PENCIL_MARKS);
        } else if (what < 28) {
            ClockTick(S);
        } else { // a tap on an open cell: mostly its solution digit
            int cell = pick(81);
            while (S->Board[cell]) cell = (cell + 1) % 81;
            const int solution = S->SolutionGrid[cell] & CELL_DIGIT;
            const int d = pick(4) == 0 || !solution ? pick(9) : solution - 1;
            StylusDown(S, BoardSpot{cell, d, -1});
            StylusUp(S, BoardSpot{cell, d, -1});
        }
        if (current >= 0 && S->KeptName[0]) names[current] = S->KeptName;
        fprintf(out, "%d %d %s %s\n", action, current, S->KeptName[0] ? S->KeptName : "-",
                S->KeptName[0] ? GameState(S).c_str() : "-");
        fflush(out);
    }
}

struct ScriptLine {
    int action, game;
    std::string name, state;
};

// The next line of a script, false at its end.
bool ReadScriptLine(FILE* in, ScriptLine* line) {
    char name[64];
    static char state[65536];
    if (fscanf(in, "%d %d %63s %65535s", &line->action, &line->game, name, state) != 4)
        return false;
    line->name = name, line->state = state;
    return true;
}

TEST_F(Keep, GamesPlayedByAKilledProgramAreAllThereAndWhole) {
    // On a memory file system where there is one, so that the many synced writes stay quick.
    const std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : folder;
    std::mt19937 random(20261206);
    int games = 0, midWrite = 0;
    for (int child = 0; child < CHILDREN; child++) {
        const uint32_t seed = 1000 + uint32_t(child);
        // The whole script, played here without a kill, is what each input should leave.
        const std::string reference = base + "/quadrivo-keep-ref-" + std::to_string(getpid());
        const std::string killed = base + "/quadrivo-keep-" + std::to_string(getpid());
        std::filesystem::remove_all(reference);
        std::filesystem::remove_all(killed);
        ResetForTest();
        SetStateFolder(reference.c_str());
        FILE* log = tmpfile();
        PlayScript(seed, log);
        rewind(log);
        std::vector<ScriptLine> expected;
        for (ScriptLine l; ReadScriptLine(log, &l);) expected.push_back(l);
        fclose(log);

        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(pipeEnds[0]);
            ResetForTest();
            SetStateFolder(killed.c_str());
            PlayScript(seed, fdopen(pipeEnds[1], "w"));
            _exit(0);
        }
        close(pipeEnds[1]);
        FILE* in = fdopen(pipeEnds[0], "r");
        // Killed somewhere in its second half, so that most of its games were started.
        const int killAt = ACTIONS_EACH / 2 + int(random() % (ACTIONS_EACH / 2));
        std::vector<ScriptLine> done; // the inputs finished before the kill
        for (ScriptLine l; int(done.size()) < killAt && ReadScriptLine(in, &l);) done.push_back(l);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        for (ScriptLine l; ReadScriptLine(in, &l);) done.push_back(l);
        fclose(in);
        const int last = int(done.size()) - 1; // the last input finished

        // Every file is a whole kept game: no temporary file, nothing torn.
        SetStateFolder(killed.c_str());
        std::map<std::string, std::string> onDisk;
        for (const std::string& name : FolderNames(killed)) {
            ASSERT_TRUE(IsKeptGameName(name.c_str())) << "left behind: " << name;
            Game read;
            ASSERT_EQ(ReadKeptGame(&read, name.c_str()), 1) << name;
            onDisk[name] = GameState(&read);
        }
        // Each game kept by an input that finished is there, as that input or the next left it.
        std::map<int, std::string> names;
        for (const ScriptLine& l : done)
            if (l.name != "-") names[l.game] = l.name;
        for (const auto& [game, name] : names) {
            std::string before, after;
            for (const ScriptLine& l : expected) {
                if (l.action > last + 1) break;
                if (l.game != game || l.state == "-") continue;
                (l.action <= last ? before : after) = l.state;
            }
            ASSERT_TRUE(onDisk.count(name)) << "game " << game << " of child " << child << " lost";
            const std::string& state = onDisk[name];
            EXPECT_TRUE(state == before || state == after)
                << "game " << game << " of child " << child << " killed after input " << last;
            midWrite += state != before;
            games++;
        }
        std::filesystem::remove_all(reference);
        std::filesystem::remove_all(killed);
    }
    EXPECT_GE(games, 500); // games kept when their programs were killed, all checked
    RecordProperty("games", games);
    RecordProperty("caughtInTheNextInput", midWrite);
}

TEST_F(Keep, OnlyTheNewestTwentyStay) {
    for (int n = 0; n < KEPT_GAMES_MAX + 5; n++) {
        RunCommand(S, CMD_CREATE);
        MarkAnOpenCell();
        ASSERT_TRUE(S->KeptName[0]);
    }
    char text[512];
    int listed = 0;
    while (RecentGameText(S, listed, text, sizeof text)) listed++;
    EXPECT_EQ(listed, KEPT_GAMES_MAX);
    EXPECT_EQ(FolderNames(Path("state")).size(), size_t(KEPT_GAMES_MAX));
    EXPECT_STREQ(S->Recent[0].name, S->KeptName); // the game in play is the newest
}

} // namespace
