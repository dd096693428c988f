# Calls into array operation tables as compiled code does: words pushed right to left (a Double
# or 64-bit integer as two words, low word at the lower address), the caller pops them, and the
# result stays where the callee left it (EAX, EDX:EAX or st(0)). The first argument is the
# table function; the C prototypes in TableCallShimTest.cpp name the result type.
        .text
        .globl QVShimGet1Double, QVShimGet1Single, QVShimGet1Int64
QVShimGet1Double:                       # (fn, array, i)
QVShimGet1Single:
QVShimGet1Int64:
        pushl %ebp
        movl %esp, %ebp
        pushl 16(%ebp)
        pushl 12(%ebp)
        call *8(%ebp)
        leave
        ret

        .globl QVShimGet3Double, QVShimGet3Single, QVShimGet3Int64
QVShimGet3Double:                       # (fn, array, i, j, k)
QVShimGet3Single:
QVShimGet3Int64:
        pushl %ebp
        movl %esp, %ebp
        pushl 24(%ebp)
        pushl 20(%ebp)
        pushl 16(%ebp)
        pushl 12(%ebp)
        call *8(%ebp)
        leave
        ret

        .globl QVShimSet1Wide, QVShimIndexOfWide
QVShimSet1Wide:                         # (fn, array, low word, high word, i)
QVShimIndexOfWide:
        pushl %ebp
        movl %esp, %ebp
        pushl 24(%ebp)
        pushl 20(%ebp)
        pushl 16(%ebp)
        pushl 12(%ebp)
        call *8(%ebp)
        leave
        ret

        .globl QVShimSet1Single, QVShimIndexOfSingle
QVShimSet1Single:                       # (fn, array, value, i)
QVShimIndexOfSingle:
        pushl %ebp
        movl %esp, %ebp
        pushl 20(%ebp)
        pushl 16(%ebp)
        pushl 12(%ebp)
        call *8(%ebp)
        leave
        ret

        .globl QVShimSet3Wide
QVShimSet3Wide:                         # (fn, array, low word, high word, i, j, k)
        pushl %ebp
        movl %esp, %ebp
        pushl 32(%ebp)
        pushl 28(%ebp)
        pushl 24(%ebp)
        pushl 20(%ebp)
        pushl 16(%ebp)
        pushl 12(%ebp)
        call *8(%ebp)
        leave
        ret

        .section .note.GNU-stack,"",@progbits
