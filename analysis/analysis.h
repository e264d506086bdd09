// The analysis record: everything one analysis holds between and during its runs — the game
// it analyses, the grid chosen, the step found, the chain graph, the link answers, the almost
// locked sets and the scratch tables of the searches. Every analysis operation takes it first
// (Analysis* A), so analyses of different games run at once on different threads. A new
// record is idle: no step, no graph, nothing cached. It is large (about 1.5 MB): make it with
// new, never on a stack.
#pragma once
#include "analysis/als.h"
#include "analysis/cellset.h"
#include "analysis/chainproof.h"
#include "analysis/chains.h"
#include "analysis/links.h"
#include "analysis/state.h"
#include "analysis/step.h"
#include "model/game.h"
#include <cstdint>

struct Analysis {
    Game* G; // the game analysed: its Board, marks and options; a single step is entered in it

    // --- the step (state.h, step.h, driver.h) ---
    DigitMask* AnalysisGrid;     // G's CandidateGrid or MarkGrid, chosen by each driver run
    uint16_t StepMarks[81] = {}; // one mark per cell of the step found (0: not part of it)
    // Chains drawn for the step, in drawing order: the chosen step's (MarkCurrentStep) or the
    // chains asked for (ChainSelection); no search writes it.
    ChainDisplayListRecord ChainDisplayList = {};
    // What the last run for display or rating returned; 0 when nothing waits for the step
    // button.
    int32_t PendingStep = 0;
    // 1 while the almost-locked-sets search also links cells through the chain graph: the
    // second pass of each driver run, and a rating from its start until its first second pass.
    int AlsChainLinks = 0;
    StepRecord CurrentStep = {}; // the step found, as the techniques recorded it
    // -1: search normally; CHAIN_SHOW_ALL: show every chain; 0 <= v < ChainCount: show chain
    // v. Put back to -1 once the chains have been shown.
    int32_t ChainSelection = -1;
    // Non-zero only while a rating runs (it starts at 1); ApplyStep adds each step's cost.
    int32_t RatingScore = 0;

    // --- the chain graph (chains.h): nodes in chain blocks, the chain table with its end
    // entry; chain k's nodes are ChainTable[k].first .. ChainTable[k + 1].first ---
    ChainNode ChainNodeTable[CHAIN_NODES_MAX] = {};
    int ChainNodeCount = 0;
    ChainEntry ChainTable[CHAINS_MAX + 1] = {};
    int ChainCount = 0;
    // Weak links between nodes of two chains, first in the lower chain; no pair twice.
    WeakLinkRecord WeakLinks[WEAK_LINKS_MAX] = {};
    int WeakLinkCount = 0;
    // The digits of each cell that can still seed or join a chain while BuildChains colours.
    DigitMask StrongDigits[81] = {};
    // Set only for the chains on the current ChainImplies search path (clear between
    // searches).
    uint8_t ChainVisited[CHAINS_MAX] = {};
    // The links of the last proof ChainImplies found, deepest first (one per chain crossed).
    ImpliedLinkRecord ImpliedLinks[CHAINS_MAX] = {};
    int ImpliedLinkCount = 0;
    // GraphVersion moves on with every change of nodes, chains or weak links; never 0. The
    // lookups below only speed the searches up, and each is remade when its version is old.
    uint32_t GraphVersion = 1;
    // Weak links touching each chain, in list order (ChainLinkList[ChainLinkStart[k] ..]), for
    // the graph of AdjacencyVersion.
    int16_t ChainLinkStart[CHAINS_MAX + 1] = {};
    int16_t ChainLinkList[2 * WEAK_LINKS_MAX] = {};
    uint32_t AdjacencyVersion = 0;
    // ChainImplies answers found false for the graph and links of the adjacency lists: bit
    // 2 b + colour of row a. A search started from a clear ChainVisited that fails changes
    // nothing (no flag stays set, no chain is shown), so the same question is answered from
    // here.
    uint64_t ImpliesFalse[CHAIN_NODES_MAX][2 * CHAIN_NODES_MAX / 64] = {};
    // Sub-searches of Implies that failed, by entry node and colour, for the sought node
    // ImpliesSoughtNode and the current graph (entries of another stamp are empty). `blocked`
    // holds the chains the failed search was refused because they were already on the path
    // above it. Refusals are the only way the path above changes a search, and a longer path
    // refuses more, so the same search fails again whenever those chains are on the path again.
    ImpliesFailRecord ImpliesFailed[CHAIN_NODES_MAX][2] = {};
    // Sub-searches Implies(a, b, a's colour) that failed without any refusal from the path
    // above: they fail on every path (bit b of row a), for the graph of the adjacency lists.
    uint64_t ImpliesFailAlways[CHAIN_NODES_MAX][CHAIN_NODES_MAX / 64] = {};
    uint32_t ImpliesStamp = 1;
    int ImpliesSoughtNode = -1;
    // The node of each cell holding digit index d: NodeWith[d][c], -1 for none; made for the
    // graph of NodeIndexVersion.
    int16_t NodeWith[9][81] = {};
    uint32_t NodeIndexVersion = 0;

    // --- the cell-link query (links.h) ---
    // The answers asked since the cache was last emptied, in the order asked; entries past
    // LinkCacheCount are unused. Written only by QueryAlsLink and EmptyLinkCache.
    uint32_t LinkCache[LINK_CACHE_MAX] = {};
    int LinkCacheCount = 0;
    // LinkCache entries by (a, b, digit index) in both orders: 0 absent, 1 not linked, 2
    // linked. Mirrors LinkCache[0 .. IndexedEntries).
    uint8_t CacheIndex[81 * 81 * 9] = {};
    int IndexedEntries = 0;
    // Results of the graph search by (a, b, digit index) for the graph of MemoVersion (0:
    // none): 0 unknown, else 1 + a LinkFound value.
    uint8_t QueryMemo[81 * 81 * 9] = {};
    uint32_t MemoVersion = 0;
    // LinkKnown mirrors LinkCache[0 .. IndexedEntries) and, once the cache is full, the
    // QueryMemo answers of the present graph (KnownFromMemo): with a full cache a query only
    // reads the memo, and asking it changes nothing. KnownStamp moves on with every change.
    LinkKnownRecord LinkKnown[81][9] = {};
    bool KnownFromMemo = false;
    uint32_t KnownStamp = 1;

    // --- almost locked sets (als.h) ---
    // AlsTable: records back to back in the pool (size n, then n cells), referenced by offset.
    int AlsCount = 0;
    uint8_t AlsPool[ALS_MAX * 9] = {};
    int16_t AlsOffset[ALS_MAX] = {};
    // Pairs of sets (first < second) with their restricted common digits, in (i, j) order.
    int AlsPairCount = 0;
    AlsPairRecord AlsPairTable[ALS_PAIRS_MAX] = {};
    AlsInfoRecord AlsInfo[ALS_MAX] = {};
    // Lookups for the fast paths, taken at the start of each search (TakeGrid). None of them
    // changes an answer or the order in which anything is asked: they only let a search skip
    // calls that would find nothing and ask only questions whose answers are already known
    // (LinkKnown), which change nothing.
    CellSet GridDigitCells[9] = {}; // the cells whose AnalysisGrid mask holds each digit index
    // AlsAt[c][d] the sets whose cell c holds digit index d, AlsWith[d] the sets holding d
    // anywhere (words from AlsWords on unused).
    AlsBits AlsAt[81][9] = {};
    AlsBits AlsWith[9] = {};
    int AlsWords = 0;
    // The cells that have a chain node of digit index d (the nodes: NodeWith).
    CellSet NodeCells[9] = {};
    uint32_t SearchId = 1; // moves on with each search
    AlsSeesRecord AlsSees[ALS_MAX] = {};
    uint32_t SeesStamp = 1;
    uint32_t SeesKnown = 0; // the LinkKnown stamp SeesStamp was taken for
    AlsStopRecord AlsStops[81][9] = {};
    // Per pair (see TryAllPairs): the cells t where TryPair(t, pair) may ask a link query with
    // no known answer, and outside those, the cells where it finds a step.
    CellSet PairUnsure[ALS_PAIRS_MAX] = {};
    CellSet PairFires[ALS_PAIRS_MAX] = {};
    // Set lookup for AddAls: slots hold record index + 1 (0 empty); mirrors records 0 ..
    // HashedAls.
    int16_t AlsHash[ALS_HASH_SLOTS] = {};
    int HashedAls = 0;

    // --- scratch of single searches ---
    // Fish (fish.cpp): per-cell flags of the search running now; each operation that uses it
    // clears it first. Fish: 1 base cell in the cover, 4 fin, 2 target. Box-and-two-lines: 1
    // box cell on a line, +4 when it holds the digit, 2 line cell outside the box holding it.
    uint8_t CellScratch[81] = {};
    ProofSearchRecord ProofSearch = {}; // the chain proof's breadth-first search

    explicit Analysis(Game* game) : G(game), AnalysisGrid(game->MarkGrid) {}
    Analysis(const Analysis&) = delete;
    Analysis& operator=(const Analysis&) = delete;
};
