; Reset vector: set up the stack and jump to main.
.include "vectors.inc"
        .org    RESET_VECTOR
start:  ld      sp, #STACK_TOP
        call    _main
halt:   jr      halt
