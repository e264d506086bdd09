// Forcing chains over the chain graph: colour traps, two chains, and chains through the cell.
#pragma once

int FindForcingChain();
int FindColourTrap(int cell);
int FindChainPairElimination(int cell);
int FindCellChainElimination(int cell);
int FindPeerNodeInChain(int cell, int from, int chain, unsigned digits);
