// Calls an array operation table entry as compiled code does: words pushed right to left (a
// Double or 64-bit integer as two words, low word at the lower address), the caller pops them,
// and the result stays where the callee left it (EAX, EDX:EAX or st(0)). The first argument is
// the table entry; the shim always passes the next six words, as cdecl lets a callee ignore any
// it does not take. TableCallShimTest.cpp casts it to the prototype that names the result type.
        .text
        .globl QVTableCallShim
QVTableCallShim:
        pushl %ebp
        movl %esp, %ebp
        .irp offset, 32, 28, 24, 20, 16, 12
        pushl \offset(%ebp)
        .endr
        call *8(%ebp)
        leave
        ret

        .section .note.GNU-stack,"",@progbits
