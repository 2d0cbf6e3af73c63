// Construction order of the core library's process-wide static objects.
//
// Objects in different source files are otherwise built in an unspecified
// order. Each stage below is a static-initialisation priority (a smaller
// number is built earlier, and destroyed later); objects given no priority,
// such as the core's application object, are built after all of them. The
// string constants are compile-time constants and need no stage.
//
// Use: `static Type object __attribute__((init_priority(QUORVIA_INIT_ORDER_...))));`
#pragma once

// The language lock and the base folder.
#define QUORVIA_INIT_ORDER_LANGUAGE 1100
// The on/off switch, then the rating cache (both in one source file, in that
// order).
#define QUORVIA_INIT_ORDER_RATING 1200
