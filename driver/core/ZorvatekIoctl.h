/*
 * What a program needs to talk to the Zorvatek control device: the control codes and the
 * layout of their buffers. Plain C without any system header, so that the kernel driver, the
 * simulator and the editor all include the one copy.
 */
#ifndef ZORVATEK_IOCTL_H
#define ZORVATEK_IOCTL_H

/* User mode opens the control device by this name. */
#define ZORVATEK_DEVICE_PATH "\\\\.\\Zorvatek"

/* Device type keyboard (0Bh), buffered transfer, any access: the same rule the port uses to
 * build the codes from their function numbers. */
#define ZORVATEK_CTL_CODE(function) ((0x0Bu << 16) | ((unsigned)(function) << 2))

/* Input: the bytes to send, each with acknowledgement. Output: none. */
#define IOCTL_FILTER_SEND ZORVATEK_CTL_CODE(0x800)
/* Input: one request frame (02h, LEN, DATA, LRC). Output: the whole answer frame from 02h to
 * its LRC; the number of bytes returned is its length. */
#define IOCTL_FILTER_EXCHANGE ZORVATEK_CTL_CODE(0x801)
/* Input: none. Output: 4 bytes or more; receives ZORVATEK_VERSION as a little-endian 32-bit value. */
#define IOCTL_FILTER_VERSION ZORVATEK_CTL_CODE(0x802)

/* 1.0.0.6, one byte per part, most significant first. */
#define ZORVATEK_VERSION 0x01000006u

/* The longest answer frame: STX, LEN of 255, 255 data bytes, LRC. */
#define ZORVATEK_MAX_FRAME 258u
/* The output buffer the editor hands over for an exchange. */
#define ZORVATEK_ANSWER_BUFFER 259u

/* Frame framing, and the bytes of the keyboard's own command set that the driver relies on. */
#define ZORVATEK_STX 0x02u
#define ZORVATEK_KBD_ACK 0xFAu
#define ZORVATEK_KBD_RESEND 0xFEu
#define ZORVATEK_KBD_DISABLE 0xF5u
#define ZORVATEK_KBD_ENABLE 0xF4u

#endif
