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

/* The keyboard's service commands, the first data byte of a request frame and of its answer.
 * The driver carries them without looking; the editor and the simulated firmware speak them. */
#define ZORVATEK_CMD_WRITE_MEMORY 0x9Cu
#define ZORVATEK_CMD_READ_MEMORY 0x9Du
#define ZORVATEK_CMD_READ_INFO 0x9Eu
#define ZORVATEK_CMD_STATUS 0x9Fu
#define ZORVATEK_CMD_PLAY_NOTES 0xA0u
#define ZORVATEK_CMD_READ_MATRIX 0xA1u

/* The Linux counterpart offers the same three requests on /dev/zorvatek. A Linux ioctl passes
 * one pointer, so input and output travel in one structure per request; the numbers follow the
 * kernel's _IOC layout (direction in bits 30-31, structure size in bits 16-29, type, number),
 * spelled out here because this header includes no system header. */
#define ZORVATEK_LINUX_DEVICE_PATH "/dev/zorvatek"
#define ZORVATEK_LINUX_IOC_WRITE 1u
#define ZORVATEK_LINUX_IOC_READ 2u
#define ZORVATEK_LINUX_IOC_TYPE 0x5Au /* 'Z' */
#define ZORVATEK_LINUX_IOC(dir, nr, size)                                                                    \
    (((unsigned)(dir) << 30) | ((unsigned)(size) << 16) | (ZORVATEK_LINUX_IOC_TYPE << 8) | (unsigned)(nr))

/* The longest request frame: STX, LEN of 255, 255 data bytes, LRC. */
#define ZORVATEK_MAX_REQUEST 258u

/* ZORVATEK_LINUX_SEND: length bytes of data are sent, each with acknowledgement. */
struct zorvatek_send {
    unsigned int length;
    unsigned char data[ZORVATEK_MAX_REQUEST];
    unsigned char reserved[2];
};

/* ZORVATEK_LINUX_EXCHANGE: request_length bytes of request go out; on success answer_length is
 * the length of the whole answer frame in answer. A time-out fails the call with ETIMEDOUT. */
struct zorvatek_exchange {
    unsigned int request_length;
    unsigned int answer_length;
    unsigned char request[ZORVATEK_MAX_REQUEST];
    unsigned char answer[ZORVATEK_ANSWER_BUFFER];
    unsigned char reserved[3];
};

/* ZORVATEK_LINUX_VERSION: receives ZORVATEK_VERSION. */
struct zorvatek_version {
    unsigned int version;
};

#define ZORVATEK_LINUX_SEND ZORVATEK_LINUX_IOC(ZORVATEK_LINUX_IOC_WRITE, 0x00, sizeof(struct zorvatek_send))
#define ZORVATEK_LINUX_EXCHANGE                                                                              \
    ZORVATEK_LINUX_IOC(ZORVATEK_LINUX_IOC_READ | ZORVATEK_LINUX_IOC_WRITE, 0x01,                             \
                       sizeof(struct zorvatek_exchange))
#define ZORVATEK_LINUX_VERSION                                                                               \
    ZORVATEK_LINUX_IOC(ZORVATEK_LINUX_IOC_READ, 0x02, sizeof(struct zorvatek_version))

#endif
