// Lets the model target survive the reader's exit(1) on a node beyond its limits: the link
// wraps exit and fopen (-Wl,--wrap=exit,--wrap=fopen), and while armed an exit jumps back
// to the harness instead of ending the process, so that input is checked like any other.
#pragma once
#include <setjmp.h>
#include <stdio.h>

extern jmp_buf modelExitJump;
extern int modelExitArmed;   // 1 while loadModel runs under the harness
extern int modelExitCode;    // the code passed to the intercepted exit
extern FILE* lastOpenedFile; // the reader's open file, closed by the harness after a jump
