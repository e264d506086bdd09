// Saved games: the puzzle block, move records "[ n R.C. = d]" with '>' on the first move not
// applied, and mark records "{.........}", read from the first MiB of a file and written whole
// through ReplaceFile. Invariant after the reader: Board bytes are 0 or carry a digit 1..9, and
// 0 <= MovePos <= MoveEnd <= 81 with every record in use naming a cell 0..80 and a digit 1..9.
#include "files/gamefile.h"
#include "files/filereader.h"
#include "files/replacefile.h"
#include "model/board.h"
#include "model/game.h"
#include "model/history.h"
#include "model/marks.h"
#include "model/options.h"
#include <cstdio>
#include <cstring>
#include <unistd.h>

// A game holds at most one move per cell.
static constexpr int MAX_MOVES = 81;
static_assert(MAX_MOVES < HISTORY_SLOTS);

static constexpr int MOVE_RECORD_SIZE = 15; // "[%2d R%cC%c = %c]\r\n"
static constexpr int MARK_RECORD_SIZE = 12; // "{" nine bytes "}" blank
static constexpr int MARK_LINE_SIZE = 9 * MARK_RECORD_SIZE + 2;
// The largest saved game: 3x3 block, 81 moves, nine mark lines.
static constexpr int SAVE_MAX = 123 + MAX_MOVES * MOVE_RECORD_SIZE + 9 * MARK_LINE_SIZE;
// A saved game is a few KiB (SAVE_MAX); its reader stops after this much of any file.
static constexpr int64_t GAME_READ_LIMIT = 1 << 20;
static_assert(SAVE_MAX < GAME_READ_LIMIT);
static_assert(SAVE_MAX <= GAME_FILE_MAX);

// The DigitMask of the mark record collected in record (0 for a filled cell's record).
static DigitMask ParseMarkRecord(const uint8_t* record) {
    DigitMask mask = 0;
    for (int i = 1; i <= 9; i++) {
        uint8_t c = record[i];
        if (c == ' ') return 0; // a filled cell's record
        if (c != '.') mask |= DigitMask(1u << (i - 1));
    }
    return mask;
}

// Closes the move record collected in record ("[nnXRrCc = d", 12 bytes).
// A record whose cell falls outside 0..80 is ignored, and so is one whose digit byte is not
// '1'..'9' (the program never writes another) and any record past the 81st: a game fills each
// cell at most once, so no saved game holds more. What is kept can always be replayed.
static void CloseMoveRecord(Game* G, const uint8_t* record, bool* marker) {
    const int cell = 9 * (record[5] - '1') + (record[7] - '1');
    const int digit = record[11] - '0';
    if (cell < 0 || cell > 80 || digit < 1 || digit > 9 || G->MoveEnd >= MAX_MOVES) return;
    if (!*marker && G->Board[cell] == digit) G->Board[cell] |= CELL_ENTERED; // applied: an entry
    G->MoveHistory[G->MoveEnd] = MoveRecord((digit | CELL_ENTERED) + 256 * cell);
    G->MoveEnd++;
    if (record[3] == '>') { // the first move not applied
        G->MovePos = G->MoveEnd - 1;
        *marker = true;
    }
}

int LoadGameFile(Game* G, const char* path) {
    FileReader file;
    if (!OpenReader(&file, path, nullptr)) return 0;
    file.limit = GAME_READ_LIMIT; // a huge file that is no saved game cannot hold the window
    ResetGame(G);

    // Puzzle block: digits are givens, '0' and '.' (and '-' with EMPTY_DASHES) empty cells,
    // everything else (line ends of either kind included) is layout and skipped.
    const bool dashes = G->AnalysisOptions.blockFormat & EMPTY_DASHES;
    bool ended = false;
    for (int n = 0; n < 81;) {
        int c = ReadFileByte(&file);
        if (c == 0) {
            ended = true; // the end of the file, or a zero byte, ends the whole reader
            break;
        }
        if (c == '0' || c == '.' || (c == '-' && dashes))
            G->Board[n++] = 0;
        else if (c >= '1' && c <= '9')
            G->Board[n++] = uint8_t(c - '0');
    }

    uint8_t field[LINE_BUFFER_SIZE]; // the record being collected
    // Records: k counts the bytes collected since '[' or '{' (-1 outside a record).
    G->MoveEnd = 0;
    bool marker = false;
    int k = -1;
    int m = 0;
    while (!ended) {
        int c = ReadFileByte(&file);
        if (c == 0) break;
        if (c < 32) continue;
        if (c == ']') {
            if (k == 12) CloseMoveRecord(G, field, &marker);
            k = -1;
            continue;
        }
        if (c == '}') {
            if (k == 10 && m < 81) { // more than 81 mark records: the rest are ignored
                G->MarkGrid[m] = G->MarkSnapshot[m] = ParseMarkRecord(field);
                m++;
            }
            k = -1;
            continue;
        }
        if (c == '[' || c == '{') k = 0;
        if (k >= 0) {
            if (k < LINE_BUFFER_SIZE) field[k] = uint8_t(c);
            if (k <= LINE_BUFFER_SIZE) k++; // an overlong field never closes a record
        }
    }
    close(file.fd);

    if (!marker) G->MovePos = G->MoveEnd; // every move counts as applied
    return m + 1;
}

// The puzzle block of board in format's layout and empty-cell character; its length.
static int PuzzleBlock(const uint8_t* board, uint32_t format, uint8_t* out) {
    const char empty = (format & EMPTY_NULLS) ? '0' : (format & EMPTY_DOTS) ? '.' : '-';
    int n = 0;
    for (int i = 0; i < 81; i++) {
        int d = board[i] & CELL_DIGIT;
        out[n++] = uint8_t(d ? '0' + d : empty);
        if (i % 9 == 8) {
            out[n++] = '\r';
            out[n++] = '\n';
            if ((i / 9) % 3 == 2 && (format & LAYOUT_3X3)) { // an empty line after each band
                out[n++] = '\r';
                out[n++] = '\n';
            }
        } else if (i % 3 == 2) {
            out[n++] = ' ';
        }
    }
    return n;
}

int FormatPuzzleBlock(const Game* G, uint8_t* out) {
    return PuzzleBlock(G->Board, G->AnalysisOptions.blockFormat, out);
}

int FormatMarkRecord(const Game* G, int cell, uint8_t* out) {
    const uint8_t byte = G->Board[cell];
    out[0] = '{';
    if (byte == 0) {
        for (int i = 1; i <= 9; i++)
            out[i] = uint8_t((G->MarkGrid[cell] >> (i - 1) & 1) ? '0' + i : '.');
    } else {
        std::memset(out + 1, ' ', 9);
        out[5] = uint8_t('0' + (byte & CELL_DIGIT));
    }
    out[10] = '}';
    out[11] = ' ';
    return MARK_RECORD_SIZE;
}
int FormatGameFile(const Game* G, uint8_t* out, uint32_t blockFormat, bool marks) {
    int n = PuzzleBlock(G->Board, blockFormat, out);

    const int moves = G->MoveEnd < MAX_MOVES ? G->MoveEnd : MAX_MOVES;
    for (int j = 0; j < moves; j++) {
        const MoveRecord r = G->MoveHistory[j];
        const int cell = r >> 8, number = j + 1; // number < 100: at most 81 moves
        // "[%2d R%cC%c = %c]\r\n"
        uint8_t* record = out + n;
        std::memcpy(record, "[   R.C. = .]\r\n", MOVE_RECORD_SIZE);
        if (number >= 10) record[1] = uint8_t('0' + number / 10);
        record[2] = uint8_t('0' + number % 10);
        if (j == G->MovePos) record[3] = '>'; // the first move not applied
        record[5] = uint8_t('1' + cell / 9);
        record[7] = uint8_t('1' + cell % 9);
        record[11] = uint8_t('0' + (r & 15));
        n += MOVE_RECORD_SIZE;
    }

    if (marks) {
        for (int i = 0; i < 81; i++) {
            uint8_t* record = out + n;
            int size = FormatMarkRecord(G, i, record);
            if (i % 9 == 8) {
                record[size++] = '\r';
                record[size++] = '\n';
            }
            n += size;
        }
    }
    return n;
}

int SaveGameFile(const Game* G, const char* path) {
    uint8_t image[GAME_FILE_MAX];
    const int n = FormatGameFile(G, image, G->AnalysisOptions.blockFormat,
                                 G->AnalysisOptions.showCandidates == 0);
    return ReplaceFile(path, image, n, FILE_MODE_SHARED);
}

void DefaultSaveName(int year, int month, int day, char* out) {
    auto twoDigits = [](int v) { return (v % 100 + 100) % 100; };
    std::snprintf(out, 10, "Pzl%02d%02d%02d", twoDigits(year), twoDigits(month), twoDigits(day));
}
