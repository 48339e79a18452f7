#include "board.h"

int main(void)
{
    for (;;) {
        led_toggle();
        delay(BLINK_TICKS); /* -D in the compiler options of blinky.ini */
    }
}
