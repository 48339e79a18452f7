#include "board.h"

static volatile unsigned char *const port = (unsigned char *)LED_PORT;

void led_toggle(void)
{
    *port ^= LED_MASK;
}

void delay(unsigned int ticks)
{
    while (ticks--)
        ;
}
