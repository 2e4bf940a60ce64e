// One step of the whole match, its inputs, and its digest.
#pragma once
#include <stdint.h>


// Steps run since the match was reset.
extern uint32_t matchStep;

// Every rider moves once, in index order.
void stepMatch();

// A 64-bit FNV-1a hash over everything a step depends on, in a fixed order, floats by
// their bits: every rider's place, heading, speed, timers, score, steering and trail, and
// the generator. Equal digests mean the same match, whatever built it.
uint64_t matchDigest();
