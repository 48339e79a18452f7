#ifndef BOARD_H
#define BOARD_H

#define LED_PORT 0x20
#define LED_MASK 0x01

void led_toggle(void);
void delay(unsigned int ticks);

#endif
