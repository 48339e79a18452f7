#include "board.h"

int main(void)
{
    for (;;) {
        led_toggle();
        delay(500);
    }
}
